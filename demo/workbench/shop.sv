# The workbench demo as a user works, one input a line (the class library's script commands; the
# windows are found by their titles, the nodes of the browsers by their texts).
#
# The shop agent's button on the tool bar opens the shop database; the kernel asks for the log-in.
click "Tessaform Workbench" "Shop"
text "Log-in" Edit 3 "SHOP"
text "Log-in" Edit 4 "shop"
press "Log-in" OKButton 1
# Along the order's reference to its customer: open it, choose it (the object view shows that
# customer), then open the customer's set of orders.
click "Tessaform Workbench" "ondemand<Customer(1)>    customer" double
click "Tessaform Workbench" "ondemand<Customer(1)>    customer"
click "Tessaform Workbench" "set   <Order(1)>     orders" double
# Along the order's reference to its product and on to the product's supplier: each chosen shows
# in the object view.
click "Tessaform Workbench" "ondemand<Product(1)>    product" double
click "Tessaform Workbench" "ondemand<Product(1)>    product"
click "Tessaform Workbench" "ondemand<Supplier(1)>    supplier"
# A customer chosen in the extent of Customer: the object view shows it.
click "Tessaform Workbench" " name=customer 12 email=c12@shop.example"
